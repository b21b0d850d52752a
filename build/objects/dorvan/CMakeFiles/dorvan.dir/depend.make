# Empty dependencies file for dorvan.
# This may be replaced when dependencies are built.
