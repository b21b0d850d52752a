# Empty dependencies file for sheet.
# This may be replaced when dependencies are built.
