// Module start-up and shutdown, in the program's fixed order: the display size is
// recorded, then the picture classes register their extensions.
#pragma once

namespace galimo {

void StartModules();
void StopModules();

}  // namespace galimo
