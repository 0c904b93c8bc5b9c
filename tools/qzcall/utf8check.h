// Whether bytes are well-formed UTF-8 as JSON output needs them: no overlong forms,
// no surrogates, nothing above U+10FFFF.
#ifndef QZCALL_UTF8CHECK_H
#define QZCALL_UTF8CHECK_H

#include <string>

namespace qzcall {

bool isValidUtf8(const std::string& bytes);

}  // namespace qzcall

#endif
