#include "xls/ListErrors.h"

#include "platform/format.h"

EListError::EListError(long index) : Exception(Format(u"List index out of bounds (%d)", {index})) {}
