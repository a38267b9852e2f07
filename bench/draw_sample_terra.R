# terra's way of drawing a stratified random sample from a raster, for the
# side-by-side whole-process measurements of brennic-kappa --design --draw.
# Usage: Rscript bench/draw_sample_terra.R MAP N OUT.csv   (N cells of each class)
args <- commandArgs(trailingOnly = TRUE)
suppressPackageStartupMessages(library(terra))
map <- rast(args[1])
set.seed(1)
drawn <- spatSample(map, size = as.integer(args[2]), method = "stratified", xy = TRUE,
                    cells = TRUE, na.rm = TRUE)
write.csv(drawn, args[3], row.names = FALSE)
cat(nrow(drawn), "cells drawn\n")
