// What `pennant list` prints, done directly on libhivex with nothing on top:
// one "{KEY}<TAB>button text" line per sub key of the Extensions key.
//
//   raw_list HIVE
#include <hivex.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: raw_list HIVE\n");
        return 2;
    }
    hive_h* hive = hivex_open(argv[1], 0);
    if (hive == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    hive_node_h key = hivex_root(hive);
    for (const char* name : {"Microsoft", "Internet Explorer", "Extensions"})
        key = key != 0 ? hivex_node_get_child(hive, key, name) : 0;
    hive_node_h* children = key != 0 ? hivex_node_children(hive, key) : nullptr;
    for (std::size_t i = 0; children != nullptr && children[i] != 0; ++i) {
        char* name = hivex_node_name(hive, children[i]);
        const hive_value_h value = hivex_node_get_value(hive, children[i], "ButtonText");
        char* text = value != 0 ? hivex_value_string(hive, value) : nullptr;
        std::printf("%s\t%s\n", name != nullptr ? name : "", text != nullptr ? text : "");
        std::free(text);
        std::free(name);
    }
    std::free(children);
    hivex_close(hive);
    return children != nullptr ? 0 : 1;
}
