#include "common/DesktopOpen.h"

#include "common/DesktopHandler.h"
#include "common/Error.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace tk {

bool openWithDesktop(const QString& pathOrUrl)
{
    // The office's open command, where one is set, takes the desktop's place for everything.
    const QStringList command = openCommandOverride();
    if (!command.isEmpty()) {
        try {
            runOpenCommand(command, pathOrUrl);
            return true;
        } catch (const Error&) {
            return false;
        }
    }
    const QUrl url = QFileInfo(pathOrUrl).isAbsolute() || QFileInfo::exists(pathOrUrl)
        ? QUrl::fromLocalFile(QFileInfo(pathOrUrl).absoluteFilePath())
        : QUrl(pathOrUrl);
    return QDesktopServices::openUrl(url);
}

} // namespace tk
