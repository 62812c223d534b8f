// Quenta has no sources yet; this keeps the library target buildable.
namespace quenta {
}
