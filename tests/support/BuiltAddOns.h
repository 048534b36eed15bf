#pragma once
// The add-on libraries as the build puts them beside the programs (TK_BIN_DIR, else the build's
// bin folder), bound once per test program, for windows that tests make themselves.
#include "common/AddOns.h"

#include <QString>

namespace tk::test {

inline QString binDir()
{
    const QString dir = qEnvironmentVariable("TK_BIN_DIR");
    return dir.isEmpty() ? QStringLiteral(TK_BIN_DIR_DEFAULT) : dir;
}

inline const addons::AddOns& builtAddOns()
{
    static const addons::AddOns addOns = addons::loadAddOns(binDir());
    return addOns;
}

} // namespace tk::test
