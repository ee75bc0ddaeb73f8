#pragma once
// An include that runs up the layers: the layer check must refuse this tree.
#include "runs/batch_run.h"
