// vormadddb: hands readings to the metering DBMS through a drop folder. When a drop folder is
// configured, each reading becomes one CSV line in a file of the day there, for a loader on the
// DBMS side to pick up; without one the program exports through its own DBMS connection.
// The drop folder: the environment variable VORMADDDB_DROP_DIR, else the line "DropFolder=PATH"
// of vormadddb.cfg (UTF-8) in the library's folder. Formats are described in addons/README.md.
#include "vormadddb.h"

#include "AddonText.h"

#include <cerrno>
#include <charconv>
#include <ctime>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

using namespace vormaddon;

namespace {

std::string libraryFolder()
{
#if defined(_WIN32)
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&libraryFolder), &self))
        return {};
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return {};
    char utf8[MAX_PATH * 4];
    const int m = WideCharToMultiByte(CP_UTF8, 0, path, int(n), utf8, sizeof utf8, nullptr, nullptr);
    std::string p(utf8, m > 0 ? size_t(m) : 0);
#else
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&libraryFolder), &info) || !info.dli_fname)
        return {};
    std::string p = info.dli_fname;
#endif
    const size_t slash = p.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : p.substr(0, slash);
}

std::string dropFolder()
{
    std::string folder = environment("VORMADDDB_DROP_DIR");
    if (!folder.empty())
        return folder;
    std::FILE* f = openFile(libraryFolder() + "/vormadddb.cfg", "rb");
    if (!f)
        return {};
    std::string line;
    char buf[4096];
    while (std::fgets(buf, sizeof buf, f)) {
        line = buf;
        if (line.substr(0, 3) == "\xEF\xBB\xBF")
            line.erase(0, 3);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        static const std::string key = "DropFolder=";
        if (line.compare(0, key.size(), key) == 0) {
            folder = line.substr(key.size());
            break;
        }
    }
    std::fclose(f);
    return folder;
}

std::string number(double v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v); // shortest text that reads back as v
    return std::string(buf, r.ptr);
}

} // namespace

extern "C" {

VORM_EXPORT int PossibleWriteToDb(VormError* error)
{
    try {
        return dropFolder().empty() ? 0 : 1;
    } catch (...) {
        raise(error, "vormadddb: не хватило памяти");
        return 0;
    }
}

VORM_EXPORT void WriteToDb(int kind, int meterNumber, int status, double dateTime, int checkSum, int runMinutes,
                           int corrections, int difference, double t1, double t2, double t3, double b1, double b2,
                           double b3, VormError* error)
{
    try {
        const std::string folder = dropFolder();
        if (folder.empty()) {
            raise(error, "vormadddb: папка для показаний не задана (VORMADDDB_DROP_DIR или vormadddb.cfg)");
            return;
        }
        const std::time_t now = std::time(nullptr);
        std::tm day{};
#if defined(_WIN32)
        localtime_s(&day, &now);
#else
        localtime_r(&now, &day);
#endif
        char name[64];
        std::strftime(name, sizeof name, "/readings-%Y-%m-%d.csv", &day);
        const std::string path = folder + name;

        std::string line;
        for (int v : {kind, meterNumber, status})
            line += std::to_string(v) + ',';
        line += number(dateTime) + ',';
        for (int v : {checkSum, runMinutes, corrections, difference})
            line += std::to_string(v) + ',';
        for (double v : {t1, t2, t3, b1, b2})
            line += number(v) + ',';
        line += number(b3) + "\r\n";

        std::FILE* f = openFile(path, "ab");
        if (!f) {
            raise(error, "Не удалось записать показание в " + path + ": " + systemReason(errno));
            return;
        }
        std::fseek(f, 0, SEEK_END);
        if (std::ftell(f) == 0)
            line = "kind,meter,status,datetime,checksum,runminutes,corrections,difference,"
                   "t1,t2,t3,billing_t1,billing_t2,billing_t3\r\n" + line;
        bool ok = std::fwrite(line.data(), 1, line.size(), f) == line.size() && std::fflush(f) == 0;
        int e = ok ? 0 : errno;
        if (std::fclose(f) != 0 && ok) {
            ok = false;
            e = errno;
        }
        if (!ok)
            raise(error, "Не удалось записать показание в " + path + ": " + systemReason(e));
    } catch (...) {
        raise(error, "vormadddb: не хватило памяти");
    }
}

} // extern "C"
