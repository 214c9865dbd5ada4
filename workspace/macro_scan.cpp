#include "workspace/macro_scan.h"
