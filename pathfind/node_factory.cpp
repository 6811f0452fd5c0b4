// The node pool: one block per setup instead of a record per node.
#include "pathfind/node_factory.h"

#include <cstdlib>

NodeFactory::~NodeFactory() { release(); }

void NodeFactory::release() {
  std::free(nodes);
  nodes = nullptr;
  count = 0;
  used = 0;
}

bool NodeFactory::reserve(int32_t n) {
  if (n <= 0) return false;
  release();
  // Nodes are plain records: every field is written when one is taken.
  nodes = static_cast<Node*>(std::malloc(size_t(n) * sizeof(Node)));
  if (!nodes) return false;
  count = n;
  return true;
}
