// A matcher that reaches up into the operations.
#include "morph/convert.h"
