INSERT INTO t VALUES ('a;b', "c;\"d"); -- fim;
/* ; */ SELECT 1;;
  ;
SELECT `x;y`