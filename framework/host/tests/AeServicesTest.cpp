// Host services seen from the plug-in: conversions of host values, host memory blocks, the
// suite cache and the property list bytes.

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "host/ae/AeConversions.h"
#include "host/ae/HostMemory.h"
#include "host/ae/PropertyList.h"
#include "host/ae/SuiteCache.h"

namespace quorvane {
namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

TEST(AeConversions, IntegerConversionsSaturateAndIgnoreNaN)
{
    EXPECT_EQ(fixedFromDouble(45.5), 2981888);
    EXPECT_EQ(fixedFromDouble(-1.5), -98304);
    EXPECT_EQ(fixedFromDouble(1e300), kIntMax);
    EXPECT_EQ(fixedFromDouble(-1e300), kIntMin);
    EXPECT_EQ(fixedFromDouble(std::nan("")), 0);
    EXPECT_EQ(scaledSize(kIntMax, PF_RationalScale{kIntMax, 1}), kIntMax);
    EXPECT_EQ(scaledSize(1920, PF_RationalScale{1, 2}), 960);
    EXPECT_EQ(scaledSize(1920, PF_RationalScale{1, 0}), 1920);
    EXPECT_EQ(rationalValue(PF_RationalScale{3, 0}), 3.0);
    EXPECT_EQ(layerPixelAspect(PF_RationalScale{3, 0}), 1.0);
    EXPECT_EQ(timeInSteps(100, 0), 0.0);

    const Rect extreme{kIntMin, kIntMax, kIntMin, kIntMax};
    EXPECT_EQ(rectWidth(extreme), kIntMax);
    EXPECT_TRUE(grownRect(extreme, 100) == extreme);
    Rect moved = extreme;
    moved.offset(kIntMax, kIntMin);
    EXPECT_TRUE((moved == Rect{-1, kIntMax, kIntMin, -1}));
}

TEST(AeConversions, SinglePrecisionRoundsAndOverflowsToInfinity)
{
    EXPECT_EQ(toSinglePrecision(0.1), 0.1f);
    EXPECT_EQ(toSinglePrecision(DBL_MAX), std::numeric_limits<float>::infinity());
    EXPECT_EQ(toSinglePrecision(-DBL_MAX), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(toSinglePrecision(static_cast<double>(FLT_MAX)), FLT_MAX);
    // Just below the midpoint to the next power of two, the hardware rounds down to FLT_MAX.
    EXPECT_EQ(toSinglePrecision(static_cast<double>(FLT_MAX) + 0x1p102), FLT_MAX);
    EXPECT_EQ(toSinglePrecision(static_cast<double>(FLT_MAX) + 0x1p103),
              std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(toSinglePrecision(std::nan(""))));
}

// Host handles whose locked blocks start at deliberately odd addresses.
struct OddHandles {
    struct Handle {
        std::vector<unsigned char> storage;
        int locks = 0;
    };
    static inline std::set<Handle*> live;
    static inline long failNext = 0;

    static PF_Handle create(A_u_long bytes)
    {
        if (failNext > 0 && --failNext == 0)
            return nullptr;
        auto* handle = new Handle;
        handle->storage.resize(bytes + 3);
        live.insert(handle);
        return reinterpret_cast<PF_Handle>(handle);
    }
    static void* lock(PF_Handle h)
    {
        auto* handle = reinterpret_cast<Handle*>(h);
        ++handle->locks;
        // Three bytes in: no alignment at all.
        return handle->storage.data() + 3;
    }
    static void unlock(PF_Handle h) { --reinterpret_cast<Handle*>(h)->locks; }
    static void dispose(PF_Handle h)
    {
        auto* handle = reinterpret_cast<Handle*>(h);
        EXPECT_EQ(handle->locks, 0);
        EXPECT_EQ(live.erase(handle), 1u);
        delete handle;
    }
    static PF_UtilCallbacks callbacks()
    {
        PF_UtilCallbacks utils{};
        utils.host_new_handle = create;
        utils.host_lock_handle = lock;
        utils.host_unlock_handle = unlock;
        utils.host_dispose_handle = dispose;
        return utils;
    }
};

TEST(AeHostMemory, BlocksAreAlignedDistinctAndReturned)
{
    const PF_UtilCallbacks utils = OddHandles::callbacks();
    std::vector<void*> blocks;
    for (int bytes : {0, 0, 1, 15, 16, 4096}) {
        void* block = allocateHostBlock(&utils, bytes);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kHostBlockAlignment, 0u);
        std::memset(block, 0xab, static_cast<std::size_t>(bytes));
        blocks.push_back(block);
    }
    EXPECT_EQ(std::set<void*>(blocks.begin(), blocks.end()).size(), blocks.size());
    EXPECT_EQ(OddHandles::live.size(), blocks.size());
    for (void* block : blocks)
        releaseHostBlock(&utils, block);
    releaseHostBlock(&utils, nullptr);
    EXPECT_TRUE(OddHandles::live.empty());
}

TEST(AeHostMemory, RefusalsAndImpossibleSizesGiveNull)
{
    const PF_UtilCallbacks utils = OddHandles::callbacks();
    OddHandles::failNext = 1;
    EXPECT_EQ(allocateHostBlock(&utils, 10), nullptr);
    EXPECT_EQ(allocateHostBlock(&utils, -1), nullptr);
    EXPECT_EQ(allocateHostBlock(nullptr, 10), nullptr);
    PF_UtilCallbacks noHandles{};
    EXPECT_EQ(allocateHostBlock(&noHandles, 10), nullptr);
    EXPECT_TRUE(OddHandles::live.empty());
}

struct CountingSuites {
    static inline std::map<std::string, int> acquired;
    static inline std::map<std::string, int> released;
    static inline bool offerColour = true;
    static inline const PF_ParamUtilsSuite1 paramUtils{nullptr};
    static inline const PF_ColorParamSuite1 colour{nullptr};

    static SPErr acquire(const char* name, A_long version, const void** suite)
    {
        EXPECT_EQ(version, 1);
        ++acquired[name];
        if (std::strcmp(name, kPFParamUtilsSuite) == 0)
            *suite = &paramUtils;
        else if (std::strcmp(name, kPFColorParamSuite) == 0 && offerColour)
            *suite = &colour;
        else
            return 1;
        return 0;
    }
    static SPErr release(const char* name, A_long)
    {
        ++released[name];
        return 0;
    }
};

TEST(AeSuiteCache, AcquiresOnceReleasesOnce)
{
    SPBasicSuite basic{CountingSuites::acquire, CountingSuites::release};
    CountingSuites::acquired.clear();
    CountingSuites::released.clear();
    {
        SuiteCache cache(&basic);
        const PF_ParamUtilsSuite1* first = nullptr;
        const PF_ParamUtilsSuite1* second = nullptr;
        EXPECT_EQ(cache.paramUtils(&first), PF_Err_NONE);
        EXPECT_EQ(cache.paramUtils(&second), PF_Err_NONE);
        EXPECT_EQ(first, &CountingSuites::paramUtils);
        EXPECT_EQ(first, second);
        EXPECT_TRUE(CountingSuites::released.empty());
    }
    EXPECT_EQ(CountingSuites::acquired[kPFParamUtilsSuite], 1);
    EXPECT_EQ(CountingSuites::released[kPFParamUtilsSuite], 1);
    EXPECT_EQ(CountingSuites::acquired.count(kPFColorParamSuite), 0u);
}

TEST(AeSuiteCache, MissingSuiteOrAccessGives516AndNothingToRelease)
{
    SPBasicSuite basic{CountingSuites::acquire, CountingSuites::release};
    CountingSuites::acquired.clear();
    CountingSuites::released.clear();
    CountingSuites::offerColour = false;
    {
        SuiteCache cache(&basic);
        const PF_ColorParamSuite1* colour = nullptr;
        EXPECT_EQ(cache.colourParams(&colour), PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_EQ(colour, nullptr);
    }
    CountingSuites::offerColour = true;
    EXPECT_TRUE(CountingSuites::released.empty());
    SuiteCache none(nullptr);
    const PF_ParamUtilsSuite1* utils = nullptr;
    EXPECT_EQ(none.paramUtils(&utils), PF_Err_BAD_CALLBACK_PARAM);
}

std::vector<std::uint8_t> bytesOf(std::initializer_list<int> values)
{
    return std::vector<std::uint8_t>(values.begin(), values.end());
}

std::vector<std::uint8_t> textBytes(const std::string& text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(AePropertyList, GlowBytesAsTabled)
{
    const std::vector<std::uint8_t> bytes = propertyListBytes(Deliverable::Glow);
    // Version 1, reserved 0, 12 properties.
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 10),
              bytesOf({1, 0, 0, 0, 0, 0, 12, 0, 0, 0}));
    // The first property: vendor 8BIM and key kind as little-endian numbers, id 0, length 4,
    // the code eFKT.
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 10, bytes.begin() + 30),
              textBytes(std::string("MIB8dnik") + std::string(4, '\0') + "\x04" +
                        std::string(3, '\0') + "TKFe"));

    std::vector<PropertyListEntry> entries;
    ASSERT_TRUE(parsePropertyList(bytes, &entries));
    ASSERT_EQ(entries.size(), 12u);
    const char* keys[] = {"kind", "name", "catg", "wx86", "ePVR", "eSVR",
                          "eVER", "eINF", "eGLO", "eGL2", "eMNA", "aeFL"};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].vendor, "8BIM");
        EXPECT_EQ(entries[i].key, keys[i]);
        EXPECT_EQ(entries[i].id, 0);
    }
    EXPECT_EQ(entries[1].data, bytesOf({4, 0xBB, 0xD4, 0xB9, 0xE2}));
    EXPECT_EQ(entries[2].data, textBytes("\x08Quorvane"));
    EXPECT_EQ(entries[3].data, textBytes(std::string("EntryPointFunc") + '\0'));
    EXPECT_EQ(entries[4].data, bytesOf({0, 0, 2, 0}));
    EXPECT_EQ(entries[5].data, bytesOf({2, 0, 12, 0}));
    EXPECT_EQ(entries[6].data, bytesOf({0x00, 0x3e, 0x09, 0x00}));
    EXPECT_EQ(entries[7].data, bytesOf({0, 0}));
    EXPECT_EQ(entries[8].data, bytesOf({0, 0, 0, 0x06}));
    EXPECT_EQ(entries[9].data, bytesOf({0x80, 0x14, 0, 0}));
    EXPECT_EQ(entries[10].data, textBytes("\x09KWQV Glow"));
    EXPECT_EQ(entries[11].data, bytesOf({0, 0, 0, 0}));
}

TEST(AePropertyList, EveryDeliverableParsesWithItsNames)
{
    for (int i = 0; i < kDeliverableCount; ++i) {
        const auto deliverable = static_cast<Deliverable>(i);
        const DeliverableIdentity& identity = identityOf(deliverable);
        const std::vector<std::uint8_t> bytes = propertyListBytes(deliverable);
        EXPECT_EQ(bytes.size() % 2, 0u);
        std::vector<PropertyListEntry> entries;
        ASSERT_TRUE(parsePropertyList(bytes, &entries)) << identity.name;
        ASSERT_EQ(entries.size(), 12u);
        const std::string menu = identity.menuName;
        EXPECT_EQ(entries[1].data, textBytes(std::string(1, char(menu.size())) + menu));
        const std::string match = identity.matchName;
        EXPECT_EQ(entries[10].data, textBytes(std::string(1, char(match.size())) + match));
        Deliverable named{};
        ASSERT_TRUE(deliverableNamed(identity.name, &named));
        EXPECT_EQ(named, deliverable);
    }
    EXPECT_EQ(textBytes(identityOf(Deliverable::Highlight).menuName),
              bytesOf({0xB8, 0xDF, 0xB9, 0xE2}));
    Deliverable unused{};
    EXPECT_FALSE(deliverableNamed("Glow", &unused));
}

TEST(AePropertyList, TruncatedOrPaddedBytesAreRejected)
{
    std::vector<std::uint8_t> bytes = propertyListBytes(Deliverable::Quadsoft);
    std::vector<PropertyListEntry> entries;
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.end() - 1);
    EXPECT_FALSE(parsePropertyList(cut, &entries));
    bytes.push_back(0);
    EXPECT_FALSE(parsePropertyList(bytes, &entries));
    EXPECT_FALSE(parsePropertyList({}, &entries));
}

} // namespace
} // namespace quorvane
