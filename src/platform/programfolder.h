#pragma once

#include <QString>

namespace vidfolio {

// The folder that holds the running executable, without a trailing slash.
QString programFolder();

// `folder` joined with `name`, with exactly one separator between them.
QString pathInFolder(const QString &folder, const QString &name);

} // namespace vidfolio
