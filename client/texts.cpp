#include "client/texts.h"

#include "platform/codepage.h"
