#include "workspace/mmt_data.h"
