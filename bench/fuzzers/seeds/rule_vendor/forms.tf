physicalRules(
 spacingRules(
  ( minWidth m1 1.5e1 )
  ( minSpacing "poly" "metal1" ( difference 1 0.55 ) )
  ( minWidth poly 2 e -1 )
 ) ;spacingRules
) ;physicalRules
