// Placeholder translation unit so that the layer's library builds before it has sources.
namespace veralith::search {
} // namespace veralith::search
