// The qz_ functions; until the next change every call is refused.
#include "qzcapi/qzcapi.h"

extern "C" {

int qz_proxy_open(const char*, size_t, const char*, size_t, int32_t, qz_proxy**, qz_result*) {
  return QZ_BAD_ARGUMENT;
}
void qz_proxy_close(qz_proxy*) {}
int qz_call(qz_proxy*, const char*, size_t, const uint8_t*, size_t, int32_t, qz_result*) {
  return QZ_BAD_ARGUMENT;
}
int qz_post(qz_proxy*, const char*, size_t, const uint8_t*, size_t, qz_result*) {
  return QZ_BAD_ARGUMENT;
}
void qz_result_free(qz_result*) {}
}
