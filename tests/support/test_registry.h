#pragma once

// A registry of its own for one test, on every platform.
// Elsewhere than on Windows: the file registry in the given folder.
// Windows: the system's registry, each key kept below
// HKEY_CURRENT_USER\Software\Rangwerk-Test\<process>-<number>\<root name>, so that tests running
// at the same time never meet and no test needs the rights for HKEY_LOCAL_MACHINE; that key is
// removed again when the object goes.

#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "platform/registry.h"

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#else
#include "platform/registry_file.h"
#endif

namespace rangwerk::testing_support {

#ifdef _WIN32

class TestRegistry : public Registry {
public:
    explicit TestRegistry(const std::filesystem::path& = {})
        : system_(CreateSystemRegistry()),
          own_(std::to_string(GetCurrentProcessId()) + "-" + std::to_string(NextNumber())) {
        Remove();
    }
    ~TestRegistry() override { Remove(); }

    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) override {
        return system_->OpenKey(RegistryRoot::CurrentUser, KeyPathOf(root) + "\\" + path);
    }

    // The key below HKEY_CURRENT_USER that stands for `root`.
    std::string KeyPathOf(RegistryRoot root) const {
        return "Software\\Rangwerk-Test\\" + own_ + "\\" + RegistryRootName(root);
    }

private:
    static int NextNumber() {
        static std::atomic<int> number{0};
        return ++number;
    }
    void Remove() {
        system_->OpenKey(RegistryRoot::CurrentUser, "Software\\Rangwerk-Test")
            ->DeleteSubkeyTree(own_);
    }

    std::unique_ptr<Registry> system_;
    std::string own_;
};

#else

class TestRegistry : public Registry {
public:
    explicit TestRegistry(std::filesystem::path folder) : files_(std::move(folder)) {}

    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) override {
        return files_.OpenKey(root, path);
    }

private:
    FileRegistry files_;
};

#endif

}  // namespace rangwerk::testing_support
