// Strict base64 (RFC 4648, standard alphabet, padded) for the JSON forms of byte
// values: a typing mistake on the command line is an error, never silently skipped.
#ifndef QZCALL_BASE64_H
#define QZCALL_BASE64_H

#include <string>

namespace qzcall {

// False, with `bytes` unspecified, unless `text` is exactly a padded base64 text.
bool decodeBase64(const std::string& text, std::string& bytes);

}  // namespace qzcall

#endif
