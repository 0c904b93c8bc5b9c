// QZ_API marks what libqzremote.so shows to applications from layers that are built
// with hidden symbols.
#ifndef QZVALUE_QZEXPORT_H
#define QZVALUE_QZEXPORT_H

#if defined(__GNUC__)
#define QZ_API __attribute__((visibility("default")))
#else
#define QZ_API
#endif

#endif
