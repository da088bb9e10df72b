#include "support/vlcstandin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vlc/vlc.h>

#include <dlfcn.h>

VlcStandIn::VlcStandIn(Kind kind) : m_kind(kind)
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&libvlc_new), &info) || !info.dli_fname) {
        m_error = QStringLiteral("libvlc not found");
        return;
    }
    const QFileInfo libvlc(QString::fromLocal8Bit(info.dli_fname));
    const QDir libDir = libvlc.absoluteDir();
    const QString lib = m_dir.filePath(QStringLiteral("lib"));
    QDir().mkpath(lib);
    for (const QString &name : {QStringLiteral("libvlc.so.5"), QStringLiteral("libvlccore.so.9")}) {
        const QString from = QFileInfo(libDir.filePath(name)).canonicalFilePath();
        if (from.isEmpty() || !QFile::copy(from, lib + u'/' + name)) {
            m_error = QStringLiteral("cannot copy %1 from %2").arg(name, libDir.path());
            return;
        }
    }
    if (kind == Kind::ColdStart) {
        // The plug-in folders without the cache file beside them.
        const QDir plugins(libDir.filePath(QStringLiteral("vlc/plugins")));
        const QString farm = m_dir.filePath(QStringLiteral("plugins"));
        QDir().mkpath(farm);
        for (const QString &sub : plugins.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            QFile::link(plugins.filePath(sub), farm + u'/' + sub);
    }
    m_ok = true;
}

QProcessEnvironment VlcStandIn::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), m_dir.filePath(QStringLiteral("lib")));
    if (m_kind == Kind::ColdStart)
        env.insert(QStringLiteral("VLC_PLUGIN_PATH"), m_dir.filePath(QStringLiteral("plugins")));
    else
        env.remove(QStringLiteral("VLC_PLUGIN_PATH"));
    return env;
}
