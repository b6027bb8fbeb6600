#include "platform/registry.h"

namespace rangwerk {

const char* RegistryRootName(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::CurrentUser:
            return "HKEY_CURRENT_USER";
        case RegistryRoot::LocalMachine:
            return "HKEY_LOCAL_MACHINE";
    }
    return "";
}

}  // namespace rangwerk
