#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace rangwerk::testing_support {

// A key that passes every call on to a key of another registry; tests derive from it to fail or
// record single calls. Every change runs BeforeChange() first.
class ForwardingRegistryKey : public RegistryKey {
public:
    explicit ForwardingRegistryKey(std::unique_ptr<RegistryKey> inner) : inner_(std::move(inner)) {}

    bool ValueExists(const std::string& n) const override { return inner_->ValueExists(n); }
    std::optional<std::string> ReadString(const std::string& n) const override {
        return inner_->ReadString(n);
    }
    std::optional<std::uint32_t> ReadDword(const std::string& n) const override {
        return inner_->ReadDword(n);
    }
    std::optional<std::vector<std::uint8_t>> ReadBinary(const std::string& n) const override {
        return inner_->ReadBinary(n);
    }
    void WriteString(const std::string& n, const std::string& d) override {
        BeforeChange();
        inner_->WriteString(n, d);
    }
    void WriteDword(const std::string& n, std::uint32_t d) override {
        BeforeChange();
        inner_->WriteDword(n, d);
    }
    void WriteBinary(const std::string& n, const std::vector<std::uint8_t>& d) override {
        BeforeChange();
        inner_->WriteBinary(n, d);
    }
    bool DeleteValue(const std::string& n) override {
        BeforeChange();
        return inner_->DeleteValue(n);
    }
    bool HasSubkey(const std::string& n) const override { return inner_->HasSubkey(n); }
    bool DeleteSubkeyTree(const std::string& n) override {
        BeforeChange();
        return inner_->DeleteSubkeyTree(n);
    }
    void Flush() override { inner_->Flush(); }

protected:
    virtual void BeforeChange() {}

private:
    std::unique_ptr<RegistryKey> inner_;
};

}  // namespace rangwerk::testing_support
