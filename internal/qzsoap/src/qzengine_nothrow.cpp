// Debian builds its static gSOAP library as position-independent executable code: the
// engine reaches libstdc++'s `std::nothrow` tag through one PC-relative reference, which
// cannot be bound across the boundary of a shared library. The tag is an empty object
// whose address nothing inspects, so the library binds that reference to a hidden copy
// of its own; everything else keeps using libstdc++'s.
__attribute__((visibility("hidden"))) extern const char qzEngineNothrowTag asm("_ZSt7nothrow");
const char qzEngineNothrowTag = 0;
