// Reads the service's INI configuration with the product's own INI parser.
#include "service/ServiceConfig.h"

#include "framework/settings/IniText.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace maskaddr::service {
namespace {

bool ReadInt(const TIniText& ini, const char* section, const char* name, int low, int high, int& value,
             std::string& error) {
    std::string text = ini.ReadString(section, name, "");
    if (text.empty()) return true;
    int v = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size() || v < low || v > high) {
        error = std::string("[") + section + "] " + name + " must be a number from " + std::to_string(low) +
                " to " + std::to_string(high);
        return false;
    }
    value = v;
    return true;
}

std::string Resolve(const std::string& baseDir, const std::string& path) {
    if (path.empty() || std::filesystem::path(path).is_absolute()) return path;
    return (std::filesystem::path(baseDir) / path).lexically_normal().string();
}

} // namespace

bool ParseServiceConfig(const std::string& text, const std::string& baseDir, TServiceConfig& config,
                        std::string& error) {
    TIniText ini;
    ini.ParseText(text);
    config.Listen = ini.ReadString("service", "Listen", config.Listen);
    if (!ReadInt(ini, "service", "Port", 0, 65535, config.Port, error)) return false;
    config.PublicURL = ini.ReadString("service", "PublicURL", config.PublicURL);
    config.MagicWord = ini.ReadString("service", "MagicWord", config.MagicWord);
    config.TrustedFront = ini.ReadString("service", "TrustedFront", config.TrustedFront);
    int maxQuery = static_cast<int>(config.MaxQuery);
    if (!ReadInt(ini, "service", "MaxQuery", 64, 8000, maxQuery, error)) return false;
    config.MaxQuery = static_cast<size_t>(maxQuery);
    config.Database = ini.ReadString("state", "Database", "maskaddr-service.db");
    if (config.Database.rfind("postgresql://", 0) != 0) config.Database = Resolve(baseDir, config.Database);
    config.LogFile = Resolve(baseDir, ini.ReadString("log", "File", config.LogFile));
    int logKB = static_cast<int>(config.LogMaxBytes >> 10);
    if (!ReadInt(ini, "log", "MaxKB", 1, 1 << 21, logKB, error)) return false;
    config.LogMaxBytes = static_cast<size_t>(logKB) << 10;
    THttpLimits& l = config.Limits;
    int maxHead = static_cast<int>(l.MaxHead), maxHeaders = static_cast<int>(l.MaxHeaders),
        maxBody = static_cast<int>(l.MaxBody);
    if (!ReadInt(ini, "limits", "Threads", 1, 64, l.Threads, error) ||
        !ReadInt(ini, "limits", "Backlog", 16, 65535, l.Backlog, error) ||
        !ReadInt(ini, "limits", "IdleTimeout", 1, 3600, l.IdleTimeout, error) ||
        !ReadInt(ini, "limits", "RequestTimeout", 1, 3600, l.RequestTimeout, error) ||
        !ReadInt(ini, "limits", "MaxHead", 4096, 1 << 20, maxHead, error) ||
        !ReadInt(ini, "limits", "MaxHeaders", 8, 1000, maxHeaders, error) ||
        !ReadInt(ini, "limits", "MaxBody", 0, 1 << 20, maxBody, error) ||
        !ReadInt(ini, "limits", "MaxConnections", 16, 1000000, l.MaxConnections, error) ||
        !ReadInt(ini, "limits", "MaxPerAddress", 1, 1000000, l.MaxPerAddress, error))
        return false;
    l.MaxHead = static_cast<size_t>(maxHead);
    l.MaxHeaders = static_cast<size_t>(maxHeaders);
    l.MaxBody = static_cast<size_t>(maxBody);
    config.LatestVersion = ini.ReadString("update", "LatestVersion", config.LatestVersion);
    config.Info = ini.ReadString("update", "Info", config.Info);
    config.Page = ini.ReadString("update", "Page", config.Page);
    config.SigningKey = Resolve(baseDir, ini.ReadString("update", "SigningKey", config.SigningKey));
    int allowDevelopmentKey = config.AllowDevelopmentKey ? 1 : 0;
    if (!ReadInt(ini, "update", "AllowDevelopmentKey", 0, 1, allowDevelopmentKey, error)) return false;
    config.AllowDevelopmentKey = allowDevelopmentKey == 1;
    config.Inventory = Resolve(baseDir, ini.ReadString("files", "Inventory", config.Inventory));
    config.Pages = Resolve(baseDir, ini.ReadString("files", "Pages", config.Pages));
    config.Flags = Resolve(baseDir, ini.ReadString("files", "Flags", config.Flags));
    config.GeoDatabase = ini.ReadString("geo", "Database", config.GeoDatabase);
    if (!ReadInt(ini, "health", "Interval", 1, 86400, config.HealthInterval, error)) return false;
    if (!ReadInt(ini, "health", "Timeout", 1, 120, config.HealthTimeout, error)) return false;
    if (!ReadInt(ini, "health", "Parallel", 1, 1024, config.HealthParallel, error)) return false;
    config.HealthLoopbackOnly = ini.ReadString("health", "LoopbackOnly", "1") != "0";
    config.HealthChecker = ini.ReadString("health", "Checker", "1") != "0";
    for (const std::string& line : ini.SectionLines("geo.override")) {
        std::string_view name, value;
        if (!TIniText::SplitEntry(line, name, value)) continue;
        std::string v(value);
        size_t comma = v.find(',');
        TGeoOverride where{v.substr(0, comma), comma == std::string::npos ? "" : v.substr(comma + 1)};
        if (where.CountryShort.size() != 2) {
            error = "[geo.override] " + std::string(name) + " needs a two-letter country code";
            return false;
        }
        config.GeoOverrides[std::string(name)] = where;
    }
    if (config.Inventory.empty()) {
        error = "[files] Inventory is missing";
        return false;
    }
    return true;
}

bool LoadServiceConfig(const std::string& path, TServiceConfig& config, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string base = std::filesystem::path(path).parent_path().string();
    return ParseServiceConfig(text.str(), base.empty() ? "." : base, config, error);
}

} // namespace maskaddr::service
