#include "app/tform1.h"

namespace tarvol {

// the save commands land with the export library
void TForm1::D1Click() {}
void TForm1::TxtClick() {}
void TForm1::N8Click() {}
void TForm1::N9Click() {}

} // namespace tarvol
