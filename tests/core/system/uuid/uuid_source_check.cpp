// This platform's UUID source: fresh random (version 4) UUIDs, shown as
// 36 lower-case characters whose hex digits are the 16 bytes in order.
#include "core/system/uuid.h"

#include <iostream>
#include <set>
#include <string>

namespace {

// The 16 bytes written as the text form writes them, dashes after bytes 4, 6, 8 and 10.
std::string expectedText(const platform::Uuid& uuid)
{
    const char* digits = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < uuid.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += digits[uuid[i] >> 4];
        text += digits[uuid[i] & 15];
    }
    return text;
}

} // namespace

int main()
{
    const auto source = platform::systemUuidSource();
    int passed = 0;
    int failed = 0;
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        platform::Uuid uuid{};
        std::string text;
        const bool ok = source->create(&uuid) == platform::kRpcOk && source->toString(uuid, &text) == platform::kRpcOk &&
                        text == expectedText(uuid) && (uuid[6] >> 4) == 4 && (uuid[8] & 0xC0) == 0x80 &&
                        seen.insert(text).second;
        if (!ok)
            std::cout << "FAIL: UUID " << i << " shown as \"" << text << "\" for bytes " << expectedText(uuid) << '\n';
        ++(ok ? passed : failed);
    }
    std::cout << passed << " passed, " << failed << " failed\n";
    return failed == 0 ? 0 : 1;
}
