// Symbols and numbers of Velvaro's resources. Also carried as a resource and
// read at run time, so keep one "#define NAME value" per line.
#define IDR_LNG_GERMAN                  248
#define IDR_LNG_ENGLISH                 250
#define IDR_LNG_FRANCAIS                256
#define IDR_LNG_ESPANOL                 258
#define IDR_LNG_ITALIANO                261
#define IDR_LNG_SLOVAK                  262
#define IDR_LNG_GALEGO                  263
#define IDR_LNG_RUSSIAN                 267
#define IDR_LNG_MAGYAR                  268
#define IDR_LNG_HESSISCH                276
#define IDR_LNG_BAYERISCH               277
#define IDR_LNG_NEDERLANDS              280
#define IDR_LNG_POLSKI                  286
#define IDR_LNG_ELLENIKA                303
