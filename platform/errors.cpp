#include "platform/errors.h"
#include "platform/appinfo.h"
#include "platform/logging.h"

#include <QMessageBox>

ControlError::ControlError(QString text, quint32 code)
    : m_text(Errors::controlErrorText(text, code)), m_code(code), m_utf8(m_text.toUtf8())
{ }

namespace Errors {

namespace {
ErrorReporter &reporter()
{
    static ErrorReporter r;
    return r;
}
}  // namespace

QString controlErrorText(const QString &description, quint32 code)
{
    QString text = description;
    while (!text.isEmpty() && (text.back().isSpace() || text.back().isPunct()))
        text.chop(1);
    if (text.isEmpty())
        text = QStringLiteral("OLE error %1").arg(code, 8, 16, QLatin1Char('0'));
    return text;
}

QString boxText(const QString &text)
{
    if (!text.isEmpty() && text.back().unicode() > u'.')
        return text + u'.';
    return text;
}

void showErrorBox(const QString &text)
{
    const QString shown = boxText(text);
    qCWarning(lcApp) << "error box:" << shown;
    if (reporter()) {
        reporter()(shown);
        return;
    }
    QMessageBox box(QMessageBox::Critical, AppInfo::title(), shown, QMessageBox::Ok);
    box.exec();
}

void setErrorReporter(ErrorReporter r)
{
    reporter() = std::move(r);
}

bool guarded(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const ControlError &e) {
        showErrorBox(e.text());
    } catch (const std::exception &e) {
        showErrorBox(QString::fromUtf8(e.what()));
    }
    return false;
}

}  // namespace Errors
