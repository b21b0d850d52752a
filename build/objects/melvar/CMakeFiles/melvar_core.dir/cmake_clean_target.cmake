file(REMOVE_RECURSE
  "libmelvar_core.a"
)
