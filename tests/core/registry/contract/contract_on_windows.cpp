// The registry contract against the live Windows registry (run under Wine in
// a private prefix here), in a key of its own below HKEY_LOCAL_MACHINE\SOFTWARE.
#include "registry_contract.h"

#include "core/registry/system_registry.h"

int main()
{
    const auto registry = platform::openSystemRegistry();
    return registry != nullptr && runRegistryContract(*registry, Backend::Windows) == 0 ? 0 : 1;
}
