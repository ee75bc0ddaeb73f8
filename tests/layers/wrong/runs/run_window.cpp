// A window header in a folder of qln_core: the layer check must refuse this tree.
#include <QMessageBox>
