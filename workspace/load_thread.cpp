#include "workspace/load_thread.h"
