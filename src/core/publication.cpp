// The test hook of the publication points.
#include "core/publication.h"

namespace numpl {

void (*publicationHook)(PublicationPoint point) = nullptr;

} // namespace numpl
