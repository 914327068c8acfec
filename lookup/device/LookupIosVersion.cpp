#include "LookupIosVersion.h"
