file(REMOVE_RECURSE
  "libsheet.a"
)
