#pragma once
// Seams of the manager tests: a private settings location and a private working directory.
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>

#include "ConfigHome.h"
#include "ScratchWorkDir.h"

namespace tk::test {

using WorkDir = ScratchWorkDir;

} // namespace tk::test
