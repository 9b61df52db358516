#pragma once
// The plug-in property list a host reads before it loads a plug-in: kind, menu name,
// category, entry point, versions, flags and match name. Built from the identity table, it
// ships beside each plug-in library as <name>.pipl, the raw resource bytes (little-endian).

#include <cstdint>
#include <string>
#include <vector>

#include "host/Identity.h"

namespace quorvane {

constexpr int kPropertyListResourceId = 16000;
constexpr int kPropertyListLanguage = 1033;

// A four-character code as the 32-bit number it is stored as ('eFKT' is the bytes T K F e).
constexpr std::uint32_t fourCharCode(const char (&code)[5])
{
    return (std::uint32_t(std::uint8_t(code[0])) << 24) |
           (std::uint32_t(std::uint8_t(code[1])) << 16) |
           (std::uint32_t(std::uint8_t(code[2])) << 8) | std::uint32_t(std::uint8_t(code[3]));
}

std::vector<std::uint8_t> propertyListBytes(Deliverable deliverable);

// One property: vendor and key as four-character texts, the data without its padding.
struct PropertyListEntry {
    std::string vendor;
    std::string key;
    std::int32_t id = 0;
    std::vector<std::uint8_t> data;
};

// Reads the property list back; false when the bytes are not a well-formed list.
bool parsePropertyList(const std::vector<std::uint8_t>& bytes,
                       std::vector<PropertyListEntry>* entries);

// The deliverable of a command-line name ("glow"); false when there is none.
bool deliverableNamed(const std::string& name, Deliverable* deliverable);

} // namespace quorvane
