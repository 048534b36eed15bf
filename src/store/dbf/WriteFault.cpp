#include "store/dbf/WriteFault.h"

#include "store/dbf/DbfFile.h"
#include "common/Error.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace tk::dbf {
namespace {

long long g_budget = -1;
long long g_used = 0;
FaultAction g_action = FaultAction::FailWrite;
std::vector<long long> g_starts;

} // namespace

void setWriteFault(long long budget, FaultAction action)
{
    g_budget = budget;
    g_action = action;
    g_used = 0;
    g_starts.clear();
}

std::vector<long long> fileChangeStarts() { return g_starts; }

namespace changes {

std::size_t allow(std::size_t n, bool& failed)
{
    if (g_budget >= 0)
        g_starts.push_back(g_used);
    failed = false;
    if (g_budget >= 0 && g_used + (long long)n > g_budget) {
        failed = true;
        return std::size_t(std::max(0LL, g_budget - g_used));
    }
    return n;
}

void note(std::size_t n) { g_used += (long long)n; }

void endOfBudget()
{
    if (g_action == FaultAction::ExitProcess)
        std::_Exit(77);
}

namespace {
[[noreturn]] void failed(const QString& path)
{
    endOfBudget();
    throw Error(QStringLiteral("Cannot write %1: simulated write failure").arg(path));
}
} // namespace

void write(OsFile& f, std::uint64_t offset, const void* data, std::size_t n)
{
    bool cut = false;
    const std::size_t ok = allow(n, cut);
    if (ok)
        f.writeAt(offset, data, ok);
    note(ok);
    if (cut)
        failed(f.path());
}

// The other changes count one unit each: they happen whole or not at all.
void truncate(OsFile& f, std::uint64_t size)
{
    bool cut = false;
    if (allow(1, cut) == 0)
        failed(f.path());
    f.truncate(size);
    note(1);
}

void create(OsFile& f, const QString& path)
{
    bool cut = false;
    if (allow(1, cut) == 0)
        failed(path);
    f.open(path, OsFile::Mode::CreateTruncate);
    note(1);
}

void remove(const QString& path)
{
    bool cut = false;
    if (allow(1, cut) == 0)
        failed(path);
    removeFileIfExists(path);
    note(1);
}

} // namespace changes
} // namespace tk::dbf
