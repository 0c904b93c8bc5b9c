// The host runtime types that the public proxy classes take and return
// (namespace System): references, boxed values, strings, arrays, lists,
// exceptions, disposal and the UTF-8 encoding.
#ifndef VELANTRIX_SYSTEM_H
#define VELANTRIX_SYSTEM_H

#include <velantrix/system/object.h>
#include <velantrix/system/string.h>
#include <velantrix/system/exception.h>
#include <velantrix/system/ilist.h>
#include <velantrix/system/array.h>
#include <velantrix/system/arraylist.h>
#include <velantrix/system/list.h>
#include <velantrix/system/encoding.h>
#include <velantrix/system/idisposable.h>

#endif
