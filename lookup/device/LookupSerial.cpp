#include "LookupSerial.h"
