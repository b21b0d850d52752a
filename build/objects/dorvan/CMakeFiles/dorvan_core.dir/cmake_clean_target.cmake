file(REMOVE_RECURSE
  "libdorvan_core.a"
)
