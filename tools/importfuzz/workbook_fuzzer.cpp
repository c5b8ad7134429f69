// libFuzzer target: the workbook reader of Biff.h on any bytes, in the fuzzing process itself
// (no child), so that the sanitizers see every read it makes. Each input is tried as a whole
// file (compound file and workbook stream) and as a workbook stream alone, which reaches the
// records far more often than bytes that must first make a compound file.
#include "platform/import/Biff.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    importsrc::biff::ReadWorkbookFile(data, size);
    const importsrc::biff::Book book = importsrc::biff::ReadWorkbookStream(data, size);
    // The promises of Biff.h: cells inside the format's bounds, in order, none empty.
    for (const importsrc::biff::Sheet& sheet : book.sheets) {
        for (size_t i = 0; i < sheet.cells.size(); ++i) {
            const importsrc::biff::Cell& c = sheet.cells[i];
            if (c.column >= importsrc::biff::kMaxColumns || c.kind == importsrc::biff::Kind::Empty ||
                (c.kind == importsrc::biff::Kind::Text &&
                 (c.text >= book.strings.size() || book.Text(c).empty())))
                __builtin_trap();
            if (i > 0 && (sheet.cells[i - 1].row > c.row ||
                          (sheet.cells[i - 1].row == c.row && sheet.cells[i - 1].column >= c.column)))
                __builtin_trap();
        }
    }
    return 0;
}
