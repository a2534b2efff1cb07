// Model mode and animation mode. They read nothing yet: an entry whose input
// exists is resolved and handed here, and the run goes on with the next.
#include "ModelJob.h"

void ModelJob::runModelMode(const ModelEntry&, const std::string&) {}

void ModelJob::runAnimationMode(const ModelEntry&, const std::string&) {}
