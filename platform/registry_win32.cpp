// The Windows registry behind the Registry interface.
#ifdef _WIN32

#if !defined(_WIN32_WINNT) || _WIN32_WINNT < 0x0600
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600  // RegDeleteTreeW
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/wide_text.h"
#include "platform/registry.h"

#ifdef _MSC_VER
#pragma comment(lib, "advapi32.lib")
#endif

namespace rangwerk {

namespace {

std::string WithoutLeadingBackslashes(const std::string& path) {
    std::size_t start = path.find_first_not_of('\\');
    return start == std::string::npos ? std::string() : path.substr(start);
}

[[noreturn]] void Fail(const std::string& keyName, const std::string& action, LONG code) {
    throw RegistryError("Der Registrierungsschlüssel \"" + keyName + "\" konnte nicht " + action +
                        " werden (Fehler " + std::to_string(code) + ").");
}

class Win32RegistryKey : public RegistryKey {
public:
    Win32RegistryKey(HKEY key, std::string name) : key_(key), name_(std::move(name)) {}
    Win32RegistryKey(const Win32RegistryKey&) = delete;
    Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;
    ~Win32RegistryKey() override { RegCloseKey(key_); }

    bool ValueExists(const std::string& name) const override {
        return RegQueryValueExW(key_, WideFromUtf8(name).c_str(), nullptr, nullptr, nullptr,
                                nullptr) == ERROR_SUCCESS;
    }

    std::optional<std::string> ReadString(const std::string& name) const override {
        DWORD type = 0;
        std::vector<BYTE> data;
        if (!Query(name, type, data) || type != REG_SZ) {
            return std::nullopt;
        }
        std::wstring text(data.size() / sizeof(wchar_t), L'\0');
        std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
        text.resize(std::wcslen(text.c_str()));  // the data may or may not end in a zero
        return Utf8FromWide(text);
    }

    std::optional<std::uint32_t> ReadDword(const std::string& name) const override {
        DWORD type = 0;
        std::vector<BYTE> data;
        if (!Query(name, type, data) || type != REG_DWORD || data.size() != sizeof(DWORD)) {
            return std::nullopt;
        }
        DWORD value = 0;
        std::memcpy(&value, data.data(), sizeof value);
        return value;
    }

    std::optional<std::vector<std::uint8_t>> ReadBinary(const std::string& name) const override {
        DWORD type = 0;
        std::vector<BYTE> data;
        if (!Query(name, type, data) || type != REG_BINARY) {
            return std::nullopt;
        }
        return std::vector<std::uint8_t>(data.begin(), data.end());
    }

    void WriteString(const std::string& name, const std::string& data) override {
        std::wstring text = WideFromUtf8(data);
        Set(name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
            (text.size() + 1) * sizeof(wchar_t));
    }

    void WriteDword(const std::string& name, std::uint32_t data) override {
        DWORD value = data;
        Set(name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }

    void WriteBinary(const std::string& name, const std::vector<std::uint8_t>& data) override {
        static const BYTE kNothing = 0;
        Set(name, REG_BINARY, data.empty() ? &kNothing : data.data(), data.size());
    }

    bool DeleteValue(const std::string& name) override {
        LONG result = RegDeleteValueW(key_, WideFromUtf8(name).c_str());
        if (result == ERROR_FILE_NOT_FOUND) {
            return false;
        }
        if (result != ERROR_SUCCESS) {
            Fail(name_, "geändert", result);
        }
        return true;
    }

    bool HasSubkey(const std::string& name) const override {
        std::string sub = WithoutLeadingBackslashes(name);
        HKEY key = nullptr;
        if (sub.empty() ||
            RegOpenKeyExW(key_, WideFromUtf8(sub).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }

    bool DeleteSubkeyTree(const std::string& name) override {
        std::string sub = WithoutLeadingBackslashes(name);
        if (sub.empty()) {
            // An empty name would delete everything below this key.
            throw RegistryError("Im Registrierungsschlüssel \"" + name_ +
                                "\" wurde kein zu löschender Unterschlüssel genannt.");
        }
        LONG result = RegDeleteTreeW(key_, WideFromUtf8(sub).c_str());
        if (result == ERROR_FILE_NOT_FOUND) {
            return false;
        }
        if (result != ERROR_SUCCESS) {
            Fail(name_ + "\\" + sub, "gelöscht", result);
        }
        return true;
    }

private:
    bool Query(const std::string& name, DWORD& type, std::vector<BYTE>& data) const {
        std::wstring wideName = WideFromUtf8(name);
        for (;;) {
            DWORD size = 0;
            if (RegQueryValueExW(key_, wideName.c_str(), nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS) {
                return false;
            }
            data.resize(size);
            LONG result =
                RegQueryValueExW(key_, wideName.c_str(), nullptr, &type, data.data(), &size);
            if (result == ERROR_MORE_DATA) {
                continue;  // changed between the two calls
            }
            if (result != ERROR_SUCCESS) {
                return false;
            }
            data.resize(size);
            return true;
        }
    }

    void Set(const std::string& name, DWORD type, const BYTE* data, std::size_t size) {
        LONG result = RegSetValueExW(key_, WideFromUtf8(name).c_str(), 0, type, data,
                                     static_cast<DWORD>(size));
        if (result != ERROR_SUCCESS) {
            Fail(name_, "geschrieben", result);
        }
    }

    HKEY key_;
    std::string name_;
};

class Win32Registry : public Registry {
public:
    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) override {
        std::string sub = WithoutLeadingBackslashes(path);
        std::string name = std::string(RegistryRootName(root)) + (sub.empty() ? "" : "\\") + sub;
        HKEY key = nullptr;
        LONG result = RegCreateKeyExW(
            root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
            WideFromUtf8(sub).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
            &key, nullptr);
        if (result != ERROR_SUCCESS) {
            Fail(name, "geöffnet", result);
        }
        return std::make_unique<Win32RegistryKey>(key, std::move(name));
    }
};

}  // namespace

std::unique_ptr<Registry> CreateSystemRegistry() {
    return std::make_unique<Win32Registry>();
}

}  // namespace rangwerk

#endif  // _WIN32
