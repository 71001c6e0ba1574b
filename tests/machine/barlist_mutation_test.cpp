// Bounded random mutation of valid lists: every damaged file either loads or is refused with a
// message, never crashes or reads past its records (the suite runs under ASan and UBSan).
#include <random>

#include "barlist_fixture.h"

namespace barlist_test {
namespace {

TEST_F(BarListTest, RandomlyDamagedListsAreLoadedOrRefusedWithAMessage) {
    std::mt19937 rng(20240611);
    ldatest::ListSpec veryOld = SmallList(11); // before pieces existed: machinings on the bar only
    veryOld.bars.erase(veryOld.bars.begin());
    std::vector<std::vector<uint8_t>> seeds = {ldatest::BuildLda(SmallList(102)), ldatest::BuildLda(SmallList(110)),
                                               ldatest::BuildLda(SmallList(102)), ldatest::BuildLda(SmallList(101)),
                                               ldatest::BuildLda(SmallList(110)), ldatest::BuildLda(veryOld)};
    const int16_t interesting[] = {-32768, -1, 0, 1, 7, 34, 46, 82, 255, 256, 257, 320, 321, 480, 481, 560, 561, 32767};
    int loaded = 0;
    int refused = 0;
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> bytes = seeds[static_cast<std::size_t>(round) % seeds.size()];
        const int mutations = 1 + static_cast<int>(rng() % 4);
        for (int m = 0; m < mutations && !bytes.empty(); ++m) {
            const std::size_t at = rng() % bytes.size();
            switch (rng() % 5) {
            case 0: bytes[at] = static_cast<uint8_t>(rng()); break;
            case 1:
                if (at + 1 < bytes.size()) lda::PutI16(bytes.data() + at, interesting[rng() % std::size(interesting)]);
                break;
            case 2: bytes.resize(at); break;
            case 3: bytes[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
            default:
                if (bytes.size() > lda::hdr::kVersion) bytes[lda::hdr::kVersion] = static_cast<uint8_t>(90 + rng() % 25);
                break;
            }
        }
        ClearErrorText();
        auto list = LoadBytes(bytes);
        if (list->IsLoaded()) {
            ++loaded;
        } else {
            ++refused;
            ASSERT_NE(g_errorText[0], '\0') << "round " << round;
        }
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}

} // namespace
} // namespace barlist_test
