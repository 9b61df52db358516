#include "host/ae/PropertyList.h"

#include <algorithm>

#include "host/ae/AeInterface.h"

namespace quorvane {

namespace {

constexpr std::uint16_t kListVersion = 1;
constexpr std::uint32_t kPropertyCount = 12;
constexpr std::uint32_t kPiplVersion = (2u << 16) | 0u;           // 2.0
constexpr std::uint32_t kEffectSpecVersion = (12u << 16) | 2u;    // 12.2
constexpr std::uint32_t kEffectVersion = 0x93e00;                 // 1.2.7, release stage
constexpr std::uint32_t kGlobalFlags = PF_OutFlag_DEEP_COLOR_AWARE |
                                       PF_OutFlag_SEND_UPDATE_PARAMS_UI;
constexpr std::uint32_t kGlobalFlags2 = PF_OutFlag2_REVEALS_ZERO_ALPHA |
                                        PF_OutFlag2_SUPPORTS_SMART_RENDER |
                                        PF_OutFlag2_FLOAT_COLOR_AWARE;
constexpr const char* kEntryPointName = "EntryPointFunc";

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& out, std::uint32_t v)
{
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void put32(Bytes& out, std::uint32_t v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

Bytes number32(std::uint32_t v)
{
    Bytes b;
    put32(b, v);
    return b;
}

Bytes number16(std::uint32_t v)
{
    Bytes b;
    put16(b, v);
    return b;
}

// One length byte, then the characters (at most 255 bytes).
Bytes lengthPrefixed(const std::string& text)
{
    const std::size_t length = std::min<std::size_t>(text.size(), 255);
    Bytes b;
    b.reserve(length + 1);
    b.push_back(std::uint8_t(length));
    for (std::size_t i = 0; i < length; ++i)
        b.push_back(std::uint8_t(text[i]));
    return b;
}

Bytes zeroTerminated(const std::string& text)
{
    Bytes b(text.begin(), text.end());
    b.push_back(0);
    return b;
}

// Vendor, key, id 0, the data's length, then the data padded with zeros to a multiple of 4.
void putProperty(Bytes& out, const char (&key)[5], const Bytes& data)
{
    put32(out, fourCharCode("8BIM"));
    put32(out, fourCharCode(key));
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    out.resize(out.size() + (4 - data.size() % 4) % 4, 0);
}

std::uint32_t read32(const Bytes& in, std::size_t at)
{
    return std::uint32_t(in[at]) | (std::uint32_t(in[at + 1]) << 8) |
           (std::uint32_t(in[at + 2]) << 16) | (std::uint32_t(in[at + 3]) << 24);
}

std::string codeText(std::uint32_t code)
{
    return {char(code >> 24), char(code >> 16), char(code >> 8), char(code)};
}

} // namespace

std::vector<std::uint8_t> propertyListBytes(Deliverable deliverable)
{
    const DeliverableIdentity& identity = identityOf(deliverable);
    Bytes out;
    put16(out, kListVersion);
    put32(out, 0);
    put32(out, kPropertyCount);
    putProperty(out, "kind", number32(fourCharCode("eFKT")));
    putProperty(out, "name", lengthPrefixed(identity.menuName));
    putProperty(out, "catg", lengthPrefixed(kCategory));
    putProperty(out, "wx86", zeroTerminated(kEntryPointName));
    putProperty(out, "ePVR", number32(kPiplVersion));
    putProperty(out, "eSVR", number32(kEffectSpecVersion));
    putProperty(out, "eVER", number32(kEffectVersion));
    putProperty(out, "eINF", number16(0));
    putProperty(out, "eGLO", number32(kGlobalFlags));
    putProperty(out, "eGL2", number32(kGlobalFlags2));
    putProperty(out, "eMNA", lengthPrefixed(identity.matchName));
    putProperty(out, "aeFL", number32(0));
    return out;
}

bool parsePropertyList(const std::vector<std::uint8_t>& bytes,
                       std::vector<PropertyListEntry>* entries)
{
    entries->clear();
    constexpr std::size_t header = 10;
    constexpr std::size_t propertyHeader = 16;
    if (bytes.size() < header || (bytes[0] | (bytes[1] << 8)) != kListVersion)
        return false;
    const std::uint32_t count = read32(bytes, 6);
    std::size_t at = header;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (bytes.size() - at < propertyHeader)
            return false;
        PropertyListEntry entry;
        entry.vendor = codeText(read32(bytes, at));
        entry.key = codeText(read32(bytes, at + 4));
        entry.id = static_cast<std::int32_t>(read32(bytes, at + 8));
        const std::uint64_t length = read32(bytes, at + 12);
        const std::uint64_t padded = (length + 3) / 4 * 4;
        at += propertyHeader;
        if (bytes.size() - at < padded)
            return false;
        entry.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += static_cast<std::size_t>(padded);
        entries->push_back(std::move(entry));
    }
    return at == bytes.size();
}

bool deliverableNamed(const std::string& name, Deliverable* deliverable)
{
    for (int i = 0; i < kDeliverableCount; ++i) {
        if (name == identityOf(static_cast<Deliverable>(i)).name) {
            *deliverable = static_cast<Deliverable>(i);
            return true;
        }
    }
    return false;
}

} // namespace quorvane
