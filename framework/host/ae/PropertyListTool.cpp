// Writes the property list of one deliverable: quorvane_pipl <deliverable> <output file>.
// The file appears complete or not at all.

#include <cstdio>
#include <string>

#include "host/ae/PropertyList.h"

int main(int argc, char** argv)
{
    using namespace quorvane;
    Deliverable deliverable{};
    if (argc != 3 || !deliverableNamed(argv[1], &deliverable)) {
        std::fprintf(stderr, "usage: quorvane_pipl <glow|spokewash|quadsoft|highlight|tilefield|"
                             "crystorb|retrozoom> <output file>\n");
        return 2;
    }
    const std::vector<std::uint8_t> bytes = propertyListBytes(deliverable);
    const std::string path = argv[2];
    const std::string partial = path + ".partial";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "quorvane_pipl: cannot write %s\n", partial.c_str());
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written || std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        std::fprintf(stderr, "quorvane_pipl: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
