// Writes the lunar calendar's constant tables as C++ source (controls/LunarTables.cpp) on
// standard output and its run time on standard error:
//     lunargen > controls/LunarTables.cpp

#include "tools/lunargen/LunarGen.h"

#include <chrono>
#include <cstdio>
#include <exception>

namespace {

// 1906 was reckoned by the Qing court's own rules, whose fourth month began a day later than the
// new moon of the astronomical reckoning; the year keeps the months the court published.
constexpr int kCourtYear = 1906;
constexpr std::uint16_t kCourtMonths = 0x6AA8;

void Write(const lunargen::Tables& t) {
    std::printf("// The lunar calendar's constant tables, written by tools/lunargen; do not edit by hand.\n"
                "\n"
                "#include \"controls/LunarTables.h\"\n"
                "\n"
                "namespace lunartables {\n"
                "\n"
                "// clang-format off\n"
                "const std::array<std::uint16_t, kYears> kMonthDays = {\n");
    for (int i = 0; i < lunargen::kYears; ++i) {
        const int year = lunargen::kFirstYear + i;
        const std::uint16_t word =
            year == kCourtYear ? kCourtMonths : t.monthDays[static_cast<std::size_t>(i)];
        if (i % 10 == 0)
            std::printf("    ");
        std::printf("0x%04X,%s", word, i % 10 == 9 ? "" : " ");
        if (i % 10 == 9)
            std::printf(" // %d–%d\n", year - 9, year);
    }
    std::printf("};\n\nconst std::array<std::uint8_t, kYears / 2> kLeapMonths = {\n");
    for (int i = 0; i < lunargen::kYears / 2; ++i) {
        if (i % 15 == 0)
            std::printf("    ");
        std::printf("0x%02X,%s", t.leapMonths[static_cast<std::size_t>(i)], i % 15 == 14 ? "" : " ");
        if (i % 15 == 14)
            std::printf(" // %d–%d\n", lunargen::kFirstYear + 2 * (i - 14), lunargen::kFirstYear + 2 * i + 1);
    }
    std::printf("};\n\nconst std::array<std::uint8_t, kYears * 12> kSolarTerms = {\n");
    for (int y = 0; y < lunargen::kYears; ++y) {
        std::printf("   ");
        for (int m = 0; m < 12; ++m)
            std::printf(" 0x%02X,", t.solarTerms[static_cast<std::size_t>(y * 12 + m)]);
        std::printf(" // %d\n", lunargen::kFirstYear + y);
    }
    std::printf("};\n// clang-format on\n\n} // namespace lunartables\n");
}

} // namespace

int main() {
    try {
        const auto start = std::chrono::steady_clock::now();
        const lunargen::Tables tables = lunargen::Compute();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        Write(tables);
        std::fprintf(stderr, "tables computed in %.2f s\n", seconds);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lunargen: %s\n", e.what());
        return 1;
    }
}
