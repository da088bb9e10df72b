#include "channels/formcanais.h"

#include "catalogue/channelcatalogue.h"
#include "catalogue/channelrules.h"
#include "catalogue/channelstore.h"
#include "channels/channeltablemodel.h"
#include "channels/listimport.h"
#include "media/playbacksession.h"
#include "platform/logging.h"
#include "ui_formcanais.h"

#include <QAction>
#include <QFileDialog>
#include <QHeaderView>
#include <QScopedValueRollback>
#include <QSet>
#include <QSortFilterProxyModel>

TFormCanais::TFormCanais(PlaybackSession *session, ChannelStore *store, QNetworkAccessManager *network,
                         QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FormCanais>()), m_session(session), m_store(store),
      m_model(new ChannelTableModel(this)), m_filter(new QSortFilterProxyModel(this)),
      m_import(new ListImport(network, 20000, this))
{
    ui->setupUi(this);
    m_filter->setSourceModel(m_model);
    m_filter->setFilterKeyColumn(-1);
    m_filter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    ui->Lista->setModel(m_filter);
    ui->Lista->header()->setSectionResizeMode(QHeaderView::Interactive);
    ui->Lista->setColumnWidth(ChannelTableModel::Name, 220);
    ui->Lista->setColumnWidth(ChannelTableModel::Group, 120);
    m_model->setRows(m_session->channels());

    // Delete belongs to the list alone: in a text field it deletes text.
    const auto key = [this](QWidget *on, const QKeySequence &keys, Qt::ShortcutContext context,
                            void (TFormCanais::*handler)()) {
        auto *a = new QAction(on);
        a->setShortcut(keys);
        a->setShortcutContext(context);
        connect(a, &QAction::triggered, this, handler);
        on->addAction(a);
    };
    key(this, QKeySequence(Qt::ALT | Qt::Key_Up), Qt::WindowShortcut, &TFormCanais::SubirClick);
    key(this, QKeySequence(Qt::ALT | Qt::Key_Down), Qt::WindowShortcut, &TFormCanais::DescerClick);
    key(ui->Lista, QKeySequence::Delete, Qt::WidgetShortcut, &TFormCanais::RemoverClick);

    connect(ui->Filtro, &QLineEdit::textChanged, this, &TFormCanais::FiltroChange);
    connect(ui->Adicionar, &QPushButton::clicked, this, &TFormCanais::AdicionarClick);
    connect(ui->NovoEndereco, &QLineEdit::returnPressed, this, &TFormCanais::AdicionarClick);
    connect(ui->Renomear, &QPushButton::clicked, this, &TFormCanais::RenomearClick);
    connect(ui->Remover, &QPushButton::clicked, this, &TFormCanais::RemoverClick);
    connect(ui->Subir, &QPushButton::clicked, this, &TFormCanais::SubirClick);
    connect(ui->Descer, &QPushButton::clicked, this, &TFormCanais::DescerClick);
    connect(ui->Procurar, &QPushButton::clicked, this, &TFormCanais::ProcurarClick);
    connect(ui->Importar, &QPushButton::clicked, this, &TFormCanais::ImportarClick);
    connect(ui->Origem, &QLineEdit::returnPressed, this, &TFormCanais::ImportarClick);
    connect(ui->Restaurar, &QPushButton::clicked, this, &TFormCanais::RestaurarClick);
    connect(ui->Recarregar, &QPushButton::clicked, this, &TFormCanais::RecarregarClick);

    connect(m_model, &ChannelTableModel::edited, this, &TFormCanais::ListaEdited);
    connect(m_session, &PlaybackSession::channelsChanged, this, &TFormCanais::sessionChannelsChanged);
    connect(m_import, &ListImport::finished, this, &TFormCanais::importFinished);
    connect(m_import, &ListImport::failed, this, &TFormCanais::tell);
    connect(m_store, &ChannelStore::saved, this, [this] { ui->Recarregar->hide(); });
    connect(m_store, &ChannelStore::saveFailed, this, [this](const QString &error) {
        tell(QStringLiteral("Não foi possível salvar a lista de canais (%1). O arquivo anterior foi mantido; "
                            "a lista nesta janela continua como está.")
                 .arg(error));
    });
    connect(m_store, &ChannelStore::conflict, this, [this] {
        tell(QStringLiteral(
            "O arquivo de canais foi alterado por outro programa desde que foi lido, e não foi "
            "sobrescrito. Recarregue-o para ver as mudanças."));
        ui->Recarregar->show();
    });
    connect(m_store, &ChannelStore::reloaded, this, [this](const QList<CatalogueEntry> &rows) {
        ui->Recarregar->hide();
        tell(QStringLiteral("Lista recarregada."));
        const QScopedValueRollback own(m_applying, true);
        m_model->setRows(rows.isEmpty() ? ChannelCatalogue::rows() : rows);
        m_session->replaceChannels(m_model->rows());
    });
}

TFormCanais::~TFormCanais() = default;

void TFormCanais::ListaEdited()
{
    qCDebug(lcCatalogue) << "Canais: list edited," << m_model->rowCount() << "channels";
    const QScopedValueRollback own(m_applying, true);
    m_session->replaceChannels(m_model->rows());
    m_store->save(m_model->rows());
}

void TFormCanais::sessionChannelsChanged()
{
    // The listener's list may come in after the window was made.
    if (!m_applying)
        m_model->setRows(m_session->channels());
}

void TFormCanais::FiltroChange(const QString &text)
{
    m_filter->setFilterFixedString(text);
}

QString TFormCanais::freeName(const QString &text) const
{
    QSet<QString> taken;
    for (const CatalogueEntry &row : m_model->rows())
        taken.insert(row.text);
    QString name = text;
    for (int n = 2; taken.contains(name); ++n)
        name = QStringLiteral("%1 (%2)").arg(text).arg(n);
    return name;
}

void TFormCanais::AdicionarClick()
{
    const QString address = ui->NovoEndereco->text().trimmed();
    if (!ChannelRules::isNetworkAddress(address)) {
        tell(QStringLiteral("Endereço não aceito: use um endereço de rede (%1).")
                 .arg(ChannelRules::networkSchemes()));
        ui->NovoEndereco->setFocus();
        return;
    }
    QString name = ListenerList::cleanName(ui->NovoNome->text());
    if (name.isEmpty())
        name = address;
    m_model->append({{freeName(name), address}});
    ui->NovoNome->clear();
    ui->NovoEndereco->clear();
    ui->Filtro->clear();
    selectRow(m_model->rowCount() - 1);
    tell(QStringLiteral("Canal \"%1\" adicionado.").arg(m_model->rows().constLast().text));
}

void TFormCanais::RenomearClick()
{
    const QModelIndex current = ui->Lista->currentIndex();
    if (current.isValid())
        ui->Lista->edit(current.siblingAtColumn(ChannelTableModel::Name));
}

void TFormCanais::RemoverClick()
{
    const int row = currentRow();
    if (row < 0)
        return;
    m_model->removeRows(row, 1);
    selectRow(std::min(row, m_model->rowCount() - 1));
}

void TFormCanais::SubirClick()
{
    move(-1);
}

void TFormCanais::DescerClick()
{
    move(+1);
}

void TFormCanais::move(int by)
{
    const int row = currentRow();
    if (row < 0 || row + by < 0 || row + by >= m_model->rowCount())
        return;
    m_model->moveBlock(row, 1, by < 0 ? row - 1 : row + 2);
    selectRow(row + by);
}

void TFormCanais::ProcurarClick()
{
    const QString file
        = QFileDialog::getOpenFileName(this, QStringLiteral("Importar lista"), QString(),
                                       QStringLiteral("Listas (*.m3u *.m3u8 *.pls);;Todos (*)"));
    if (!file.isEmpty())
        ui->Origem->setText(file);
}

void TFormCanais::ImportarClick()
{
    if (ui->Origem->text().trimmed().isEmpty())
        ProcurarClick();
    if (ui->Origem->text().trimmed().isEmpty())
        return;
    tell(QStringLiteral("Importando…"));
    m_import->start(ui->Origem->text());
}

void TFormCanais::importFinished(const ListenerList::Parsed &list)
{
    int ignored = list.skipped;
    QList<CatalogueEntry> added;
    if (ui->Substituir->isChecked()) {
        added = list.rows;
        m_store->adoptHeader(list);
        const QScopedValueRollback own(m_applying, true);
        m_model->setRows(added);
        ListaEdited();
    } else {
        QSet<QString> addresses, names;
        for (const CatalogueEntry &row : m_model->rows()) {
            addresses.insert(row.address);
            names.insert(row.text);
        }
        for (CatalogueEntry row : list.rows) {
            if (addresses.contains(row.address)) {
                ++ignored;
                continue;
            }
            addresses.insert(row.address);
            if (names.contains(row.text)) {
                QString name;
                for (int n = 2; names.contains(name = QStringLiteral("%1 (%2)").arg(row.text).arg(n));)
                    ++n;
                row = ListenerList::renamed(row, name);
            }
            names.insert(row.text);
            added.append(std::move(row));
        }
        m_store->addGuides(list.guides);
        m_model->append(added);
    }
    qCDebug(lcCatalogue) << "Canais: imported" << added.size() << "ignored" << ignored;
    tell(QStringLiteral("%1 canais importados, %2 ignorados.").arg(added.size()).arg(ignored));
}

void TFormCanais::RestaurarClick()
{
    if (!m_store->setAside()) {
        tell(QStringLiteral("Não foi possível guardar a sua lista como cópia; nada foi alterado."));
        return;
    }
    const QScopedValueRollback own(m_applying, true);
    m_model->setRows(ChannelCatalogue::rows());
    m_session->replaceChannels(m_model->rows());
    tell(QStringLiteral("Os canais originais voltaram. A sua lista foi guardada em %1.bak.")
             .arg(m_store->path()));
}

void TFormCanais::RecarregarClick()
{
    m_store->reload();
}

int TFormCanais::currentRow() const
{
    const QModelIndex current = m_filter->mapToSource(ui->Lista->currentIndex());
    return current.isValid() ? current.row() : -1;
}

void TFormCanais::selectRow(int row)
{
    if (row < 0)
        return;
    const QModelIndex index = m_filter->mapFromSource(m_model->index(row, ChannelTableModel::Name));
    ui->Lista->setCurrentIndex(index);
    ui->Lista->scrollTo(index);
}

void TFormCanais::tell(const QString &text)
{
    ui->Aviso->setText(text);
}
