#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"

namespace rangwerk {

// The two registry roots the program uses.
enum class RegistryRoot { CurrentUser, LocalMachine };

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
const char* RegistryRootName(RegistryRoot root);

// A key that could not be opened or created, or a value that could not be written or deleted
// (for example for lack of rights). The message is German and names the key.
class RegistryError : public Failure {
public:
    explicit RegistryError(const std::string& message) : Failure(message) {}
};

// One key opened for full access. Destroying the object closes the key.
// Names of values and subkeys compare without letter case, as on Windows. Names and string data
// are UTF-8. A subkey name may be a path of several names separated by backslashes.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    // True when the value exists, whatever its type.
    virtual bool ValueExists(const std::string& name) const = 0;

    // The data of a REG_SZ value; empty optional when the value is missing or of another type.
    virtual std::optional<std::string> ReadString(const std::string& name) const = 0;
    // The data of a REG_DWORD value; empty optional when missing or of another type.
    virtual std::optional<std::uint32_t> ReadDword(const std::string& name) const = 0;
    // The data of a REG_BINARY value; empty optional when missing or of another type.
    virtual std::optional<std::vector<std::uint8_t>> ReadBinary(const std::string& name) const = 0;

    // Writing replaces a value of the same name and any type. Throws RegistryError on failure.
    virtual void WriteString(const std::string& name, const std::string& data) = 0;
    virtual void WriteDword(const std::string& name, std::uint32_t data) = 0;
    virtual void WriteBinary(const std::string& name, const std::vector<std::uint8_t>& data) = 0;

    // Deletes the value. Returns false when it did not exist, which is no error.
    // Throws RegistryError when it exists but cannot be deleted.
    virtual bool DeleteValue(const std::string& name) = 0;

    virtual bool HasSubkey(const std::string& name) const = 0;

    // Deletes the subkey with all its values and everything below it. Returns false when it did
    // not exist, which is no error. Throws RegistryError when it cannot be deleted.
    virtual bool DeleteSubkeyTree(const std::string& name) = 0;

    // Makes the changes made through this key lasting. A store may collect them until then;
    // closing the key does the same, but can report a failure only on stderr. Throws
    // RegistryError when they cannot be stored.
    virtual void Flush() {}
};

// The registry: opens keys below one of the roots.
class Registry {
public:
    virtual ~Registry() = default;

    // Opens the key `path` (names separated by backslashes, for example "SOFTWARE\Quarv") below
    // `root` for full access, creating it and any missing parent. Throws RegistryError when the
    // key can neither be opened nor created. The key must not outlive the registry.
    virtual std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) = 0;

    // Problems with the store that the user is to be told of once, in the general error box
    // (German, one message each); each is handed out only once.
    virtual std::vector<std::string> TakeProblems() { return {}; }

    // From HoldChanges to the matching ReleaseChanges, a store that writes its changes to a file
    // keeps them back (every read sees them) and writes them all at ReleaseChanges, once for
    // each root: the changes of a start cost one write after the main window has appeared.
    // Whether the store can be written is still checked at every change. A failure of the
    // write at the release is one of TakeProblems. The system's registry writes at once.
    virtual void HoldChanges() {}
    virtual void ReleaseChanges() {}
};

// The registry of this system: the Windows registry on Windows, elsewhere the file registry in
// the folder given by DefaultRegistryFolder (platform/registry_file.h).
std::unique_ptr<Registry> CreateSystemRegistry();

}  // namespace rangwerk
