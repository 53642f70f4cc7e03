// What the dialogs share: the results they answer with and the countdown
// text.
#pragma once

#include <QString>

class CLanguageFile;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// "%i " and the language's word for seconds: "15 Seconds".
QString CountdownText(const CLanguageFile* language, int seconds);
