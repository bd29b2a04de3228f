#pragma once
// The bench instructions of the reference windows: one sheet per window
// (heading, instruction texts, picture), and the typical values window's
// grid and glossary. Fixed texts, shown exactly as they stand here.
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace kvintor {

struct ReferenceSheet {
    const char* name;    // the window's name, also its objectName
    const char* heading; // the framed heading
    // One or two instruction texts, each shown in its own label; a text may
    // hold a line break ("\n") between two paragraphs.
    std::vector<const char*> texts;
    const char* picture; // resource path of the drawing
};

// All nine sheets; the sensor checks in the order of the "Проверка" menu,
// then the typical values window.
const std::vector<ReferenceSheet>& referenceSheets();
// The sheet of the named window (fDet, ..., fZnach); nullptr if none.
const ReferenceSheet* referenceSheet(const QString& name);
// The window opened by item i of the "Проверка" menu.
const char* checkMenuWindow(int item);

// The typical values grid: two header rows, then one row per parameter.
constexpr int kZnachColumns = 7;
constexpr int kZnachHeaderRows = 2;
constexpr int kZnachParameters = 11;
// The title spanning the engine columns of the first header row.
extern const char* const kZnachEnginesTitle;
// Header of the two leading columns, then the engine types.
extern const std::array<const char*, kZnachColumns> kZnachColumnTitles;
// The parameter rows: name, unit, then one value per engine type ("" = blank).
extern const std::array<std::array<const char*, kZnachColumns>, kZnachParameters> kZnachRows;
// The glossary, one entry per line.
QStringList znachGlossary();

} // namespace kvintor
