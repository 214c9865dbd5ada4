#include "workspace/support_files.h"
