// A reader that reaches up into the matchers.
#include "pairing/pairing.h"
