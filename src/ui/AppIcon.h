#pragma once
#include <QIcon>

namespace tirvelo {
// The program's icon: an open book with a page-turning arrow, drawn by us.
QIcon applicationIcon();
QPixmap applicationIconPixmap(int size);
} // namespace tirvelo
