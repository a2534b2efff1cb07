// Fuzzes the configuration reader with arbitrary file contents.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "ConfigFile.h"
#include "platform/Platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = platform::tempFolder() + "modtools-fuzz-config.txt";
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    ConfigFile config(path.c_str(), 80);
    if (!config.load()) return 0;
    for (const auto& entry : std::vector<std::pair<std::string, std::string>>(config.entries().begin(),
                                                                             config.entries().end())) {
        std::vector<std::string> list;
        config.textList(entry.first.c_str(), list);
        // The whole list holds at least the items its first 512 characters give.
        if (config.wholeListSize(entry.first.c_str()) < list.size()) std::abort();
        std::map<std::string, int> map;
        config.integerMap(entry.first.c_str(), map);
        config.numberedNames(entry.first.c_str());
        config.boolean(entry.first.c_str());
    }
    return 0;
}
