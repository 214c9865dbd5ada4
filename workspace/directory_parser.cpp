#include "workspace/directory_parser.h"
