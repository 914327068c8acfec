#include "LookupImei.h"
