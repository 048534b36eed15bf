#include "common/DesktopOpen.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace tk {

bool openWithDesktop(const QString& pathOrUrl)
{
    const QUrl url = QFileInfo(pathOrUrl).isAbsolute() || QFileInfo::exists(pathOrUrl)
        ? QUrl::fromLocalFile(QFileInfo(pathOrUrl).absoluteFilePath())
        : QUrl(pathOrUrl);
    return QDesktopServices::openUrl(url);
}

} // namespace tk
