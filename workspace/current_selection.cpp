#include "workspace/current_selection.h"
