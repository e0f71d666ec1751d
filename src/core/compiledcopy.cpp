#include "compiledcopy.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "connectionrules.h"
#include "letterstartrules.h"
#include "utf8text.h"

namespace CompiledCopy
{

namespace
{

constexpr std::size_t maxDescriptionBytes = 64 * 1024;

std::optional<std::string> readSmallFile(const std::string& path)
{
    std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return std::nullopt;
    std::string bytes(maxDescriptionBytes + 1, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    if (std::ferror(file.get()) || bytes.size() > maxDescriptionBytes)
        return std::nullopt;
    return bytes;
}

std::optional<struct stat> statusOf(const std::string& path)
{
    struct stat status {
    };
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return status;
}

bool regularFile(const std::string& path)
{
    const auto status = statusOf(path);
    return status && S_ISREG(status->st_mode);
}

std::optional<ConnectionRules::ConnectionString> connectionOf(
    const std::string& dataDirectory, const char* connectionFile)
{
    auto bytes = readSmallFile(dataDirectory + '/' + connectionFile);
    if (!bytes || bytes->empty() || bytes->find('\0') != std::string::npos || !Utf8Text::valid(*bytes))
        return std::nullopt;
    std::string_view text = *bytes;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    auto parsed = ConnectionRules::parse(text);
    return std::move(parsed.connection);
}

bool cleanPath(const std::string& source)
{
    return !source.empty() && source.find("/.") == std::string::npos && !source.starts_with('.')
        && source.find("//") == std::string::npos;
}

bool notOlder(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec >= b.tv_nsec);
}

} // namespace

std::optional<std::string> databaseNamedBy(const std::string& dataDirectory, const char* connectionFile)
{
    const auto connection = connectionOf(dataDirectory, connectionFile);
    if (!connection || connection->kind() != ConnectionRules::Provider::Sqlite)
        return std::nullopt;
    if (connection->letterStarts && !LetterStartRules::parse(*connection->letterStarts).table)
        return std::nullopt;
    const std::string& source = connection->dataSource;
    if (!cleanPath(source))
        return std::nullopt;
    std::string path = source.starts_with('/') ? source : dataDirectory + '/' + source;
    if (!regularFile(path))
        return std::nullopt;
    return path;
}

std::string directoryFor(const std::string& dataDirectory, const char* connectionFile)
{
    const std::string copy = dataDirectory + '/' + folder;
    const auto database = databaseNamedBy(copy, connectionFile);
    const auto connection = connectionOf(dataDirectory, connectionFile);
    if (!database || !connection || connection->kind() != ConnectionRules::Provider::Text)
        return dataDirectory;
    const auto built = statusOf(*database);
    const auto description = statusOf(dataDirectory + '/' + connectionFile);
    if (!built || !description || !notOlder(built->st_mtim, description->st_mtim))
        return dataDirectory;
    const std::string& source = connection->dataSource;
    const std::string tables = source.empty() ? dataDirectory
        : source.starts_with('/')             ? source
                                              : dataDirectory + '/' + source;
    struct Closer {
        void operator()(DIR* d) const { ::closedir(d); }
    };
    std::unique_ptr<DIR, Closer> directory(::opendir(tables.c_str()));
    if (!directory)
        return dataDirectory;
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || name == folder)
            continue;
        const auto status = statusOf(tables + '/' + name);
        if (!status)
            return dataDirectory;
        if (S_ISREG(status->st_mode) && !notOlder(built->st_mtim, status->st_mtim))
            return dataDirectory;
    }
    return copy;
}

} // namespace CompiledCopy
