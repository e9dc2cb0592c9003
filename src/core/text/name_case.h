#pragma once

// How Windows compares registry names: code unit by code unit of their
// UTF-16 form, each unit upper-cased through a simple one-to-one table.
// Characters outside the Basic Multilingual Plane (surrogate pairs) never
// fold, and a letter folds only when its upper-case form folds back to it
// (so dotless i, long s, micro sign and title-case digraphs stay themselves).
namespace platform {

char16_t upcaseNameUnit(char16_t unit);

} // namespace platform
