#include "desktop/status.h"
