#include "DeviceDates.h"
