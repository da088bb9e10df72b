#pragma once

#include "catalogue/catalogueentry.h"

#include <QDialog>

#include <memory>

namespace Ui {
class FormCanais;
}
class ChannelStore;
class ChannelTableModel;
class ListImport;
class PlaybackSession;
class QNetworkAccessManager;
class QSortFilterProxyModel;
namespace ListenerList {
struct Parsed;
}

// The Canais window: the listener's own channels ("Meus canais"), edited,
// filtered and imported. Every change goes to the playback model at once,
// so the compact list and the desktop's media controls follow it, and to
// the listener's file.
class TFormCanais : public QDialog
{
    Q_OBJECT
public:
    TFormCanais(PlaybackSession *session, ChannelStore *store, QNetworkAccessManager *network,
                QWidget *parent = nullptr);
    ~TFormCanais() override;

    ChannelTableModel *channels() const { return m_model; }

public slots:
    void FiltroChange(const QString &text);
    void AdicionarClick();
    void RenomearClick();
    void RemoverClick();
    void SubirClick();
    void DescerClick();
    void ProcurarClick();
    void ImportarClick();
    void RestaurarClick();
    void RecarregarClick();

private:
    void ListaEdited();
    void importFinished(const ListenerList::Parsed &list);
    void sessionChannelsChanged();
    // The row of the list's current item in list order; -1 for none.
    int currentRow() const;
    void selectRow(int row);
    void move(int by);
    void tell(const QString &text);
    // `text`, or with " (2)", " (3)"... when a channel already has that name:
    // the compact list tells channels apart by their names.
    QString freeName(const QString &text) const;

    std::unique_ptr<Ui::FormCanais> ui;
    PlaybackSession *m_session;
    ChannelStore *m_store;
    ChannelTableModel *m_model;
    QSortFilterProxyModel *m_filter;
    ListImport *m_import;
    // The session's list changes because this window changed it.
    bool m_applying = false;
};
