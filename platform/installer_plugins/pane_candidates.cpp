#include "installer_plugins/pane_candidates.h"

PaneCandidates::~PaneCandidates() = default;
