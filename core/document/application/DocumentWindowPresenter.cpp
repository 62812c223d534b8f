#include "core/document/application/DocumentWindowPresenter.h"

namespace kestrom {

DocumentWindowPresenter::~DocumentWindowPresenter() = default;

} // namespace kestrom
