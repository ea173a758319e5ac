// Compiled, never linked, by the text tests: a code page 1251 literal must compile when every
// character is in the code page and must not compile otherwise.
#include "Text.h"

#if VORNADA_LITERAL_CASE == 0
constexpr auto kLiteral = VORNADA_CP1251("Введите пароль: ЁЁ № €");
#elif VORNADA_LITERAL_CASE == 1
constexpr auto kLiteral = VORNADA_CP1251("café");  // é is not in code page 1251
#elif VORNADA_LITERAL_CASE == 2
constexpr auto kLiteral = VORNADA_CP1251("bad \xC3 byte");  // not UTF-8
#endif

static_assert(kLiteral.size > 0);
