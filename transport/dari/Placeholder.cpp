// Dari has no sources yet; this keeps the library target buildable.
namespace dari {
}
