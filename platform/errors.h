#pragma once

#include <QString>
#include <exception>
#include <functional>

class QWidget;

// A failing call into one of the embedded controls (media engine, web
// view). It ends the running handler; the guard below shows it and the
// program goes on.
class ControlError : public std::exception
{
public:
    explicit ControlError(QString text, quint32 code = 0x80004005u);

    // The text as the user reads it: the control's own description with
    // trailing punctuation and blanks trimmed, or "OLE error %.8x" when the
    // control gave none.
    const QString &text() const { return m_text; }
    quint32 code() const { return m_code; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    quint32 m_code;
    QByteArray m_utf8;
};

namespace Errors {

// Trims trailing punctuation and blanks from a control's description; an
// empty result falls back to "OLE error %.8x".
QString controlErrorText(const QString &description, quint32 code);

// What the standard error box shows: a full stop is added when the last
// character's code is greater than that of ".".
QString boxText(const QString &text);

// Shows the standard error box (error icon, application title as caption,
// one OK button).
void showErrorBox(const QString &text);

// Replaceable for tests, which must not block on a modal box.
using ErrorReporter = std::function<void(const QString &boxText)>;
void setErrorReporter(ErrorReporter reporter);

// Runs one event handler: an error ends the handler and is reported, and
// never crosses Qt's event dispatch. False when an error ended it.
bool guarded(const std::function<void()> &handler);

}  // namespace Errors
