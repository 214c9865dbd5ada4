#include "workspace/workspace_paths.h"
