// What the dialogs share: the results they answer with, the few resource
// numbers they use in code and the countdown text. Dialog sources include
// their generated ui_ headers, whose members bear the IDC_ names that
// resource.h defines as macros, so they take the numbers from here instead.
#pragma once

#include <QString>

class CLanguageFile;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

extern const int kVolumeSliderId;   // IDC_SLIDER_VOLUME
extern const int kBalanceSliderId;  // IDC_SLIDER_BALANCE

// "%i " and the language's word for seconds: "15 Seconds".
QString CountdownText(const CLanguageFile* language, int seconds);
