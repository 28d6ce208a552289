#pragma once
// The options mtree and mtree-cv share: the growing parameters and the pruning setting.

#include "core/modeltree/model_tree_job.h"

namespace CLI {
class App;
}

namespace quarry::cli {

void AddStrataOptions(CLI::App& cmd, modeltree::StrataParameters& strata);
void AddPruneOptions(CLI::App& cmd, modeltree::PruneMode& mode, int& growingPercent);

}  // namespace quarry::cli
