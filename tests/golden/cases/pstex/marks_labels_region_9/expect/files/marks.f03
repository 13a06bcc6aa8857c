%!PS-Adobe-2.0 EPSF-1.2
%%Title: White-Black (B 3)
%%Creator: kifugram
%%CreationDate: (masked)
%%BoundingBox: 0 0 220 220
%%DocumentFonts: Helvetica Helvetica-Bold Helvetica Helvetica
%%EndComments
% the figure procedures would be here
Tavolin begin
/cache false def
/axis  true def
9 6.35 boardinit
/bdx  0 def
/bdy  0 def
/bdw  9 def
/bdh  9 def
/rgx  1 def
/rgy  1 def
/rgw  3 def
/rgh  4 def
board
2 6 bs
4 6 bs
mark (3) 0 
/bB -24 def
/bH 752 def
29 487 5 6 bst
6 6 bs
3 5 ws
6 5 ws
2 6 5 triang_f
4 4 bs
5 4 ws
2 2 ws
end
%%Trailer
