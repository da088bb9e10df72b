#pragma once

#include <QProcessEnvironment>
#include <QTemporaryDir>

// libVLC as a broken or slow installation presents it, for a child process:
// copies of the two libraries in a folder of their own, where the library
// looks for its plug-ins beside itself.
//
//   VlcStandIn vlc(VlcStandIn::Kind::NoPlugins);
//   process.setProcessEnvironment(vlc.environment());
class VlcStandIn
{
public:
    enum class Kind {
        NoPlugins,  // no plug-ins at all: creating the library fails
        ColdStart,  // every plug-in, but no plug-in cache: the first start
                    // takes seconds while each one is loaded to be listed
    };

    explicit VlcStandIn(Kind kind);
    bool isValid() const { return m_ok; }
    QString error() const { return m_error; }
    QProcessEnvironment environment() const;

private:
    QTemporaryDir m_dir;
    Kind m_kind;
    bool m_ok = false;
    QString m_error;
};
