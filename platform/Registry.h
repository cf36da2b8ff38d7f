// The Windows registry as the program uses it: string and 32-bit values under a
// key path of one of the predefined roots, and the names of a key's subkeys. Keys are
// created on writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace maskaddr {

enum class TRegRoot { CurrentUser, LocalMachine, ClassesRoot };

class IRegistry {
public:
    virtual ~IRegistry() = default;
    virtual bool KeyExists(TRegRoot root, const std::string& key) = 0;
    // nullopt when the key or value is missing or has another type.
    virtual std::optional<std::string> ReadString(TRegRoot root, const std::string& key,
                                                  const std::string& name) = 0;
    virtual std::optional<uint32_t> ReadDword(TRegRoot root, const std::string& key,
                                              const std::string& name) = 0;
    // Create the key when missing; false when the system refuses.
    virtual bool WriteString(TRegRoot root, const std::string& key, const std::string& name,
                             const std::string& value) = 0;
    virtual bool WriteDword(TRegRoot root, const std::string& key, const std::string& name,
                            uint32_t value) = 0;
    // True when the value is gone afterwards (also when it never existed).
    virtual bool DeleteValue(TRegRoot root, const std::string& key, const std::string& name) = 0;
    // The names of the key's direct subkeys; empty when the key is missing.
    virtual std::vector<std::string> SubKeys(TRegRoot root, const std::string& key) = 0;
};

} // namespace maskaddr
