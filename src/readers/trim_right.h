// trimRight: drops the blanks and tabs at the end of a text, as the fixed-length
// readers do with the badge number they cut out of a record. Only blanks (0x20)
// and horizontal tabs (0x09) go; a carriage return, a line feed or any other
// byte ends the walk, and blanks in front stay.
#ifndef HV_READERS_TRIM_RIGHT_H
#define HV_READERS_TRIM_RIGHT_H

#include <string_view>

// `text` without its trailing blanks and tabs (empty when it has nothing else).
std::string_view trimRight(std::string_view text);

#endif  // HV_READERS_TRIM_RIGHT_H
