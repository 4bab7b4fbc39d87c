// Makes the library's controls known to the model host by their class names, so
// that form files and scripts can place them.
#pragma once

namespace vitrelle::model {

void RegisterLibraryClasses();

}  // namespace vitrelle::model
